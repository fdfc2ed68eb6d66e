// The program's one handler of the signals that ask it to stop: Ctrl-C
// (SIGINT), Ctrl-\ (SIGQUIT), SIGTERM and SIGHUP. The first asks every Linux
// apartment of the process to stop (PosixApartment::request_stop: their waits
// end at once) and turns interrupted() true for the program's own loops; a
// second means a loop is stuck: `last_words` runs (async-signal-safe calls
// only, e.g. putting the terminal back) and the signal ends the program.
// SIGPIPE is ignored: a peer that went away is an error to handle.
#pragma once

namespace tovrak::platform {

void stop_on_signals(void (*last_words)() = nullptr);
bool interrupted();
// Lets `sig` act as if no handler were installed (end the program, or stop
// it for SIGTSTP) from inside a handler; async-signal-safe.
void act_as_default(int sig);

}  // namespace tovrak::platform
