# The tovrak command (its main.cpp is the program's): the script interpreter
# (which the fuzz build takes alone), and the commands.
set(TOVRAK_CLI_SCRIPT_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/script.cpp
)
set(TOVRAK_CLI_SOURCES
  ${TOVRAK_CLI_SCRIPT_SOURCES}
  ${CMAKE_CURRENT_LIST_DIR}/cmd_script.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cmd_demo.cpp
  ${CMAKE_CURRENT_LIST_DIR}/demo_host.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cmd_ports.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cmd_sim.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cmd_share.cpp
  ${CMAKE_CURRENT_LIST_DIR}/web_host.cpp
  ${CMAKE_CURRENT_LIST_DIR}/port_options.cpp
  ${CMAKE_CURRENT_LIST_DIR}/options.cpp
  ${CMAKE_CURRENT_LIST_DIR}/commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/docs.cpp
  ${CMAKE_CURRENT_LIST_DIR}/station_script.cpp
  ${CMAKE_CURRENT_LIST_DIR}/monitor_session.cpp
  ${CMAKE_CURRENT_LIST_DIR}/one_shot.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cmd_oneshot.cpp
  ${CMAKE_CURRENT_LIST_DIR}/prompt.cpp
  ${CMAKE_CURRENT_LIST_DIR}/live_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/terminal.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ser2net_server.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cmd_monitor.cpp
)
