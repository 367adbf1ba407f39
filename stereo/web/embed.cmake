# Writes OUT, a C++ source defining kWebScript and kWebStyle as the texts of
# the files SCRIPT and STYLE.
set(text "// Made by stereo/web/embed.cmake from page.js and page.css; edit those.\n")
foreach(pair "kWebScript;${SCRIPT}" "kWebStyle;${STYLE}")
  list(GET pair 0 name)
  list(GET pair 1 file)
  file(READ ${file} content)
  string(FIND "${content}" ")embed\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${file} holds the end of a raw string, )embed\"")
  endif()
  string(APPEND text "extern const char ${name}[];\nconst char ${name}[] = R\"embed(${content})embed\";\n")
endforeach()
file(WRITE ${OUT} "${text}")
