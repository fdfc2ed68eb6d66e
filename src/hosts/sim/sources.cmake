# The simulated radio: the radio itself and its faulty line in virtual time
# (which the fuzz build takes alone), and the radio in real time on the Linux
# platform (on descriptors, on a pseudo-terminal of its own).
set(TOVRAK_SIM_RADIO_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/sim_radio.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fault_line.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim_link.cpp
)
set(TOVRAK_SIM_SOURCES
  ${TOVRAK_SIM_RADIO_SOURCES}
  ${CMAKE_CURRENT_LIST_DIR}/real_time_radio.cpp
  ${CMAKE_CURRENT_LIST_DIR}/sim_on_pty.cpp
  ${CMAKE_CURRENT_LIST_DIR}/simulated_radio.cpp
)
