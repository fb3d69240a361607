# Assembles the sample installation medium in MEDIUM from the product files
# in SAMPLE and the programs built beside it. Run with cmake -P.
#   -DSAMPLE=<sample dir> -DMEDIUM=<output dir> -DICON=<icon file>
#   -DPROGRAMS=<Setup.exe|Uninstall.exe|UserSetup.exe|ZEMLO.exe>
#   -DCONTROLS=<control files for the Controls folder, |-separated>
#   -DPICTURES=<picture dir>
file(REMOVE_RECURSE "${MEDIUM}")
file(MAKE_DIRECTORY "${MEDIUM}")

# The product folders, with their nested sub-folders. Controls and Temp
# may hold nothing yet, but exist on the medium.
file(COPY "${SAMPLE}/medium/" DESTINATION "${MEDIUM}")
foreach(folder Support Controls 图框 模板 Database Data Temp)
  file(MAKE_DIRECTORY "${MEDIUM}/${folder}")
endforeach()

# The loose root files. readme.txt is kept as UTF-8 in the sources and
# shipped in GBK with CR LF, as Notepad on a Chinese Windows expects.
execute_process(
  COMMAND iconv -f UTF-8 -t GBK "${SAMPLE}/readme.txt"
  OUTPUT_VARIABLE readme RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "readme.txt: iconv failed")
endif()
string(REPLACE "\n" "\r\n" readme "${readme}")
file(WRITE "${MEDIUM}/readme.txt" "${readme}")
file(COPY "${SAMPLE}/zemlo.url" DESTINATION "${MEDIUM}")
file(COPY_FILE "${ICON}" "${MEDIUM}/ZEMLOV8.0.ico")
string(REPLACE "|" ";" PROGRAMS "${PROGRAMS}")
foreach(program ${PROGRAMS})
  file(COPY "${program}" DESTINATION "${MEDIUM}")
endforeach()

# The product's controls.
string(REPLACE "|" ";" CONTROLS "${CONTROLS}")
foreach(control ${CONTROLS})
  file(COPY "${control}" DESTINATION "${MEDIUM}/Controls")
endforeach()

# The background pictures of Setup's slideshow.
file(COPY "${PICTURES}/" DESTINATION "${MEDIUM}/安装界面")
