# System libraries the framework links privately.
find_package(PkgConfig REQUIRED)
pkg_check_modules(RTMIDI REQUIRED IMPORTED_TARGET rtmidi)
target_link_libraries(tonalith-basic PRIVATE PkgConfig::RTMIDI)
