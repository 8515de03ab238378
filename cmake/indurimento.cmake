# The hardening Debian builds its own programs with: a stack protector and stack clash checks,
# checked string and memory calls (which need an optimised build), a position-independent
# program, and relocations made read-only at start with every symbol bound at once.
option(CUSTODEX_INDURIMENTO "Build with Debian's hardening flags" ON)

if(CUSTODEX_INDURIMENTO AND NOT CUSTODEX_FUZZ)
  include(CheckPIESupported)
  check_pie_supported()
  set(CMAKE_POSITION_INDEPENDENT_CODE ON)
  add_compile_options(-fstack-protector-strong -fstack-clash-protection -Wformat
    -Werror=format-security)
  # A compiler that defines its own level would warn of the redefinition.
  add_compile_options("$<$<CONFIG:Release,RelWithDebInfo,MinSizeRel>:-U_FORTIFY_SOURCE;-D_FORTIFY_SOURCE=2>")
  add_link_options(LINKER:-z,relro LINKER:-z,now)
endif()
