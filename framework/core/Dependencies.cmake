# System libraries the framework links privately.
find_package(PkgConfig REQUIRED)
pkg_check_modules(RTMIDI REQUIRED IMPORTED_TARGET rtmidi)
target_link_libraries(tonalith-basic PRIVATE PkgConfig::RTMIDI)
# libjack itself: a client of our own hears the JACK server quit, which RtMidi does not report.
pkg_check_modules(JACK REQUIRED IMPORTED_TARGET jack)
target_link_libraries(tonalith-basic PRIVATE PkgConfig::JACK)
