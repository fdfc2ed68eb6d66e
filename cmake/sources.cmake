# Source lists of the libraries, by layer.
set(TOVRAK_CORE_SOURCES
  src/core/values/numbers.cpp
  src/core/values/text.cpp
  src/core/values/variant.cpp
  src/core/component/accessors.cpp
  src/core/component/capability.cpp
  src/core/component/events.cpp
  src/core/component/lifecycle.cpp
  src/core/component/members.cpp
  src/core/component/version.cpp
  src/core/component/member_help.cpp
  src/core/forms/control_panel.cpp
  src/core/link/port_and_timers.cpp
  src/core/link/port.cpp
  src/core/link/send.cpp
  src/core/link/command.cpp
  src/core/answers/read_buffer.cpp
  src/core/answers/consolidate.cpp
  src/core/answers/frequency_answers.cpp
  src/core/answers/receiver_answers.cpp
  src/core/answers/transmitter_answers.cpp
  src/core/polling/scheduler.cpp
  src/core/polling/sequences.cpp
  src/core/commands/frequency.cpp
  src/core/commands/widths.cpp
  src/core/commands/vfo.cpp
  src/core/commands/mode_filter.cpp
  src/core/commands/memory.cpp
  src/core/commands/receiver.cpp
  src/core/commands/transmitter.cpp
  src/core/commands/setup.cpp
)

set(TOVRAK_PLATFORM_COMMON_SOURCES
  src/platform/serial_settings.cpp
)

set(TOVRAK_PLATFORM_VIRTUAL_SOURCES
  src/platform/virtual/virtual_apartment.cpp
)

# The Linux platform and the simulated radio keep their lists beside their code.
include(${CMAKE_CURRENT_LIST_DIR}/../src/platform/posix/sources.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/../src/hosts/sim/sources.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/../src/hosts/share/sources.cmake)

set(TOVRAK_HOST_SOURCES
  ${TOVRAK_SIM_SOURCES}
  ${TOVRAK_SHARE_SOURCES}
  src/hosts/cli/script.cpp
  src/hosts/cli/cmd_script.cpp
  src/hosts/cli/cmd_demo.cpp
  src/hosts/cli/cmd_ports.cpp
  src/hosts/cli/port_options.cpp
  src/hosts/cli/options.cpp
  src/hosts/cli/link_watch.cpp
  src/hosts/cli/monitor_session.cpp
  src/hosts/cli/cmd_oneshot.cpp
  src/hosts/cli/prompt.cpp
  src/hosts/cli/live_view.cpp
  src/hosts/cli/terminal.cpp
  src/hosts/cli/sim_on_pty.cpp
  src/hosts/cli/ser2net_server.cpp
  src/hosts/cli/cmd_monitor.cpp
)
