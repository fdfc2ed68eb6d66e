// A small station-control host: opens the radio's port, switches CAT on,
// tunes VFO A and prints every Change event for a while.
//
//   tovrak-host DEVICE [MHZ] [SECONDS]
//
// Try it against the simulated radio:
//   tovrak sim --pty /tmp/radio &
//   tovrak-host /tmp/radio 7.074 5
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tovrak/connector.hpp"
#include "tovrak/posix_apartment.hpp"
#include "tovrak/version.hpp"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s DEVICE [MHZ] [SECONDS]\n", argv[0]);
    return 2;
  }
  double mhz = argc > 2 ? std::atof(argv[2]) : 14.2;
  int seconds = argc > 3 ? std::atoi(argv[3]) : 5;
  std::printf("tovrak %s\n", tovrak::version());

  tovrak::platform::PosixApartment apartment;  // this thread's message loop
  tovrak::TOVRAK_Connector connector(apartment);
  auto rig = connector.get_TOVRAK_Protocol();  // the one shared control object

  rig->SetPortDevice(argv[1]);
  rig->put_Port(1);
  rig->put_PortSpeed("9600");
  tovrak::VBool open = tovrak::VTrue;
  std::string address, code, message;
  if (!rig->SetPort(open, address, code, message)) {
    std::fprintf(stderr, "cannot open %s: %s\n", argv[1], message.c_str());
    return 1;
  }

  // Change(State): 1 mode or split, 3 S-meter, 4 a setting or status. The
  // properties answer at once from the component's memory.
  rig->AdviseChange([&](int16_t& state) {
    std::printf("Change(%d)  VFO A %.6f MHz  mode %d  S-meter %d\n", state, rig->get_VFOA_Freq(),
                rig->get_VFOA_Mode(), rig->get_SMeter());
    std::fflush(stdout);
  });
  int16_t on = 1;
  rig->SetCAT(on);
  if (!rig->SetFreq(mhz)) std::fprintf(stderr, "the radio did not take %.6f MHz\n", mhz);

  apartment.run_for(std::chrono::seconds(seconds));

  std::printf("VFO A %.6f MHz\n", rig->get_VFOA_Freq());
  int16_t off = 0;
  rig->SetCAT(off);
  open = tovrak::VFalse;
  rig->SetPort(open, address, code, message);
  return 0;
}
