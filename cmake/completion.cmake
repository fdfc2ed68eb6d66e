# Writes the bash completion script OUT from the template IN, with the member
# names that the program MEMBERS prints.
execute_process(COMMAND ${MEMBERS} OUTPUT_VARIABLE names COMMAND_ERROR_IS_FATAL ANY)
string(REPLACE "\n" " " TOVRAK_MEMBER_NAMES "${names}")
string(STRIP "${TOVRAK_MEMBER_NAMES}" TOVRAK_MEMBER_NAMES)
configure_file(${IN} ${OUT} @ONLY)
