# The station: what every front end does with the radio's port (opening it,
# CAT on and off, link health, the wire log, the transmit guard), on any
# apartment.
set(TOVRAK_STATION_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/link_health.cpp
  ${CMAKE_CURRENT_LIST_DIR}/wire_log.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transmit_guard.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tapped_serial.cpp
  ${CMAKE_CURRENT_LIST_DIR}/tapped_apartment.cpp
  ${CMAKE_CURRENT_LIST_DIR}/station.cpp
)
