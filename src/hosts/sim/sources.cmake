set(TOVRAK_SIM_SOURCES
  src/hosts/sim/sim_radio.cpp
  src/hosts/sim/fault_line.cpp
  src/hosts/sim/answer_text.cpp
  src/hosts/sim/sim_link.cpp
  src/hosts/sim/simulated_radio.cpp
  src/hosts/cli/cmd_sim.cpp
)
