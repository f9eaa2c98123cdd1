# The presenter and window-icon tests look at the window through SDL2; the
# window-icon test links the program's icon table and reads the window's icon
# property through Xlib.
pkg_check_modules(X11 REQUIRED IMPORTED_TARGET x11)
target_link_libraries(${ZV_TEST_TARGET} PRIVATE PkgConfig::SDL2 PkgConfig::X11)
target_sources(${ZV_TEST_TARGET} PRIVATE ${ZV_PROGRAM_ICONS_SOURCE})
