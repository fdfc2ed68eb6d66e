# Session scripts: each runs under `tovrak script --virtual`, and its output
# must equal the .expected file beside it.
set(TOVRAK_SESSION_SCRIPTS
  ${CMAKE_CURRENT_LIST_DIR}/sim_session.script
)
