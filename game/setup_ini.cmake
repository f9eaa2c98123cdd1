# Writes the default setup.ini to OUT unless one exists: a window, music and
# sound effects on, hardware drawing, no default name; LF line ends.
if(NOT EXISTS "${OUT}")
  file(WRITE "${OUT}" "FullScreen=0\nBGM=1\nSE=1\nHardDraw=1\nNAME=\n")
endif()
