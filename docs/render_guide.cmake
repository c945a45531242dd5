# cmake -DCMARK=... -DIN=guide.md -DTEMPLATE=guide.html.in -DOUT=Schedule.html
#       -DVERSION=x.y.z -P render_guide.cmake
# Renders the Markdown guide with cmark (raw HTML kept: the topic anchors are
# written as <a id="N"></a>) and puts it into the page template.
cmake_minimum_required(VERSION 3.21)
execute_process(COMMAND ${CMARK} --unsafe --smart ${IN}
  OUTPUT_VARIABLE BODY RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmark failed on ${IN}")
endif()
file(READ ${TEMPLATE} page)
string(REPLACE "@VERSION@" "${VERSION}" page "${page}")
string(REPLACE "@BODY@" "${BODY}" page "${page}")
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
