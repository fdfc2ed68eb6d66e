set(TOVRAK_SHARE_SOURCES
  src/hosts/share/mirror.cpp
  src/hosts/share/server.cpp
  src/hosts/share/tap.cpp
  src/hosts/share/status_view.cpp
  src/hosts/share/share_host.cpp
  src/hosts/cli/cmd_share.cpp
)
