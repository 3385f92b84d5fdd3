# Every dependency is a Debian package (see scripts/install-deps).
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(OpenSSL 3 REQUIRED)
find_package(ZLIB REQUIRED)
find_package(ICU REQUIRED COMPONENTS uc i18n)
find_package(nlohmann_json 3 REQUIRED)
pkg_check_modules(PLIST REQUIRED IMPORTED_TARGET libplist-2.0)
pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
# The panel flushes Qt's X11 connection itself while it fades in.
pkg_check_modules(XCB REQUIRED IMPORTED_TARGET xcb)
find_package(Qt6 REQUIRED COMPONENTS Widgets DBus Test)

if(SWEEPWISE_BUILD_TESTS)
  find_package(GTest REQUIRED)
endif()
if(SWEEPWISE_BUILD_BENCH)
  find_package(benchmark REQUIRED)
endif()

# SquashFS images read in-process (AppImages). The development package ships the headers
# and a static library that would need every compression library's development files; the
# shared library of the runtime package is linked instead.
find_path(SQUASHFUSE_INCLUDE_DIR squashfuse/squashfuse.h REQUIRED)
find_library(SQUASHFUSE_LIBRARY NAMES libsquashfuse.so.0 squashfuse REQUIRED)
add_library(Squashfuse::Squashfuse UNKNOWN IMPORTED)
set_target_properties(Squashfuse::Squashfuse PROPERTIES
  IMPORTED_LOCATION "${SQUASHFUSE_LIBRARY}"
  INTERFACE_INCLUDE_DIRECTORIES "${SQUASHFUSE_INCLUDE_DIR}")
