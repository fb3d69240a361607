# Draws the background pictures of the sample medium into OUT: a landscape
# of 4 : 3, contour lines of 2 : 1 and a survey grid of 1 : 1, so that the
# slideshow shows every way a picture is fitted. Run with cmake -P.
#   -DCONVERT=<ImageMagick convert> -DOUT=<folder>
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")

function(draw name)
  execute_process(COMMAND "${CONVERT}" ${ARGN} -quality 90 "${OUT}/${name}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${name}: convert failed")
  endif()
endfunction()

draw(背景1.jpg -size 1024x768 "gradient:#1b4f8a-#cfe6f5"
  -fill "#7a9a4a" -draw "polygon 0,520 180,430 330,470 520,380 700,450 860,400 1024,470 1024,768 0,768"
  -fill "#5b7a35" -draw "polygon 0,600 220,540 420,590 640,520 840,580 1024,540 1024,768 0,768"
  -fill "#8b6b3d" -draw "polygon 0,690 300,650 560,680 800,640 1024,670 1024,768 0,768")

set(contours)
foreach(step 0 1 2 3 4)
  math(EXPR rx "460 - ${step} * 90")
  math(EXPR ry "220 - ${step} * 43")
  list(APPEND contours -draw "ellipse 512,256 ${rx},${ry} 0,360")
endforeach()
draw(背景2.jpg -size 1024x512 "radial-gradient:#f4efe1-#c9b98f"
  -fill none -stroke "#7b5e34" -strokewidth 3 ${contours})

set(grid)
foreach(line 96 192 288 384 480 576 672)
  list(APPEND grid -draw "line ${line},0 ${line},768" -draw "line 0,${line} 768,${line}")
endforeach()
draw(背景3.jpg -size 768x768 "gradient:#0f3d3e-#2f8f83"
  -stroke "#9fe0d5" -strokewidth 2 ${grid}
  -fill "#e8c55a" -stroke none -draw "circle 384,384 384,330")
