# Writes OUTPUT, the C++ definitions of the build stamp in the forms of the compiler's date and
# time macros ("Jun  6 2023", "09:05:07"). The build runs it whenever the tool's code changed,
# right before the tool is linked. Under SOURCE_DATE_EPOCH the stamp is that time in UTC, as the
# compilers give it, so that builds stay reproducible.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(utc UTC)
endif()
string(TIMESTAMP month "%m" ${utc})
string(TIMESTAMP day "%d" ${utc})
string(TIMESTAMP rest "%Y\";\nconst char TimeStamp[] = \"%H:%M:%S" ${utc})
set(names Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
math(EXPR month "${month} - 1")
list(GET names ${month} name)
string(REGEX REPLACE "^0" " " day "${day}")
file(WRITE ${OUTPUT} "#include \"app/buildstamp.h\"\n\nnamespace BuildStamp {\n"
    "const char DateStamp[] = \"${name} ${day} ${rest}\";\n} // namespace BuildStamp\n")
