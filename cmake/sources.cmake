# Source lists of the libraries, by layer.
set(TOVRAK_CORE_SOURCES
  src/core/values/numbers.cpp
  src/core/values/variant.cpp
  src/core/component/accessors.cpp
  src/core/component/capability.cpp
  src/core/component/events.cpp
  src/core/component/lifecycle.cpp
  src/core/component/members.cpp
  src/core/component/pending.cpp
  src/core/forms/zel_form.cpp
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

set(TOVRAK_HOST_SOURCES
  ${TOVRAK_SIM_SOURCES}
  src/hosts/cli/script.cpp
  src/hosts/cli/cmd_script.cpp
  src/hosts/cli/cmd_demo.cpp
)
