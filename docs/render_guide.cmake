# cmake -DCMARK=... -DIN=guide.md -DTEMPLATE=guide.html.in -DOUT=Schedule.html
#       -DVERSION=x.y.z -P render_guide.cmake
# Renders the Markdown guide with cmark-gfm and its table extension (raw HTML
# kept: the topic anchors are written as <a id="N"></a>), gives every section
# heading an anchor and a line in a table of contents, and puts both into the
# page template. The build fails when a table or a help anchor is lost.
cmake_minimum_required(VERSION 3.21)
execute_process(COMMAND ${CMARK} --unsafe --smart -e table ${IN}
  OUTPUT_VARIABLE BODY RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmark-gfm failed on ${IN}")
endif()

# Every table of the guide (a header row followed by its |---| row) must come
# out as a <table>; a renderer without tables leaves a run-on paragraph.
file(STRINGS ${IN} delimiter_rows REGEX "^\\|? *:?-+:? *(\\| *:?-+:? *)+\\|? *$")
list(LENGTH delimiter_rows tables_in)
string(REGEX MATCHALL "<table>" tables_out "${BODY}")
list(LENGTH tables_out tables_out)
if(tables_out LESS tables_in)
  message(FATAL_ERROR "${IN}: ${tables_in} tables in the guide, ${tables_out} in the page")
endif()

# Section headings get ids ("s1", "s2", ...) and the contents list links them.
set(toc "")
set(rest "${BODY}")
set(body "")
set(n 0)
while(TRUE)
  string(REGEX MATCH "<h[23]>" open "${rest}")
  if(NOT open)
    break()
  endif()
  string(FIND "${rest}" "${open}" at)
  string(SUBSTRING "${open}" 2 1 level)
  string(SUBSTRING "${rest}" 0 ${at} before)
  math(EXPR at "${at} + 4")
  string(SUBSTRING "${rest}" ${at} -1 rest)
  string(FIND "${rest}" "</h${level}>" close)
  string(SUBSTRING "${rest}" 0 ${close} title)
  math(EXPR close "${close} + 5")
  string(SUBSTRING "${rest}" ${close} -1 rest)
  math(EXPR n "${n} + 1")
  string(APPEND body "${before}<h${level} id=\"s${n}\">${title}</h${level}>")
  string(REGEX REPLACE "<[^>]*>" "" plain "${title}")
  string(APPEND toc "<li class=\"toc${level}\"><a href=\"#s${n}\">${plain}</a></li>\n")
endwhile()
string(APPEND body "${rest}")
if(n EQUAL 0)
  message(FATAL_ERROR "${IN}: no section headings")
endif()

# The contents list goes where the guide asks for it.
string(FIND "${body}" "<!-- contents -->" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${IN}: no <!-- contents --> marker for the table of contents")
endif()
string(REPLACE "<!-- contents -->"
  "<nav class=\"toc\"><p><strong>Contents</strong></p>\n<ul>\n${toc}</ul></nav>" body "${body}")

file(READ ${TEMPLATE} page)
string(REPLACE "@VERSION@" "${VERSION}" page "${page}")
string(REPLACE "@BODY@" "${body}" page "${page}")
file(WRITE ${OUT} "${page}")

# F1 opens the guide at the control's help context: every context the main
# window's controls carry must be an anchor here.
foreach(context RANGE 13 33)
  list(APPEND contexts ${context})
endforeach()
foreach(context RANGE 38 44)
  list(APPEND contexts ${context})
endforeach()
foreach(context ${contexts})
  string(FIND "${BODY}" "id=\"${context}\"" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${IN}: no anchor <a id=\"${context}\"></a> for help context ${context}")
  endif()
endforeach()
