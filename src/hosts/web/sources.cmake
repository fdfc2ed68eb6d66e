# The web page of tovrak share: the pages' messages, view and hub (which the
# fuzz build takes alone), the HTTP server and the files of the page, built
# into the program by embed_assets.cmake.
set(TOVRAK_WEB_HUB_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/page_messages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/page_view.cpp
  ${CMAKE_CURRENT_LIST_DIR}/page_hub.cpp
)
set(TOVRAK_WEB_SOURCES
  ${TOVRAK_WEB_HUB_SOURCES}
  ${CMAKE_CURRENT_LIST_DIR}/web_server.cpp
)
set(TOVRAK_WEB_PAGE_DIR ${CMAKE_CURRENT_LIST_DIR}/page)
set(TOVRAK_WEB_PAGE_FILES
  ${TOVRAK_WEB_PAGE_DIR}/index.html
  ${TOVRAK_WEB_PAGE_DIR}/app.js
  ${TOVRAK_WEB_PAGE_DIR}/style.css
  ${TOVRAK_WEB_PAGE_DIR}/icon.svg
)
set(TOVRAK_WEB_EMBED_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/embed_assets.cmake)
