# The distribution's hardening for optimised Linux builds: Debian's own
# dpkg-buildflags with every hardening feature (fortified functions, stack
# protector, read-only relocations with immediate binding), and position
# independent executables. The build type keeps choosing the optimisation and
# debug information: dpkg-buildflags' own "-g -O2" are left out.
#
# Off for sanitizer and fuzz builds (their instrumentation does not mix with
# fortified functions), for unoptimised builds (_FORTIFY_SOURCE needs the
# optimiser) and for the Windows build.

set(adreca_optimised_types Release RelWithDebInfo MinSizeRel)
if(NOT WIN32 AND NOT ADRECA_SANITIZE AND NOT ADRECA_FUZZ AND CMAKE_BUILD_TYPE IN_LIST adreca_optimised_types)
  set(adreca_hardening_default ON)
else()
  set(adreca_hardening_default OFF)
endif()
option(ADRECA_HARDENING "Build with the distribution's hardening flags (dpkg-buildflags)" ${adreca_hardening_default})
if(NOT ADRECA_HARDENING)
  return()
endif()

find_program(ADRECA_DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT ADRECA_DPKG_BUILDFLAGS)
  message(FATAL_ERROR "Hardened builds take their flags from dpkg-buildflags: install dpkg-dev, "
                      "or configure with -DADRECA_HARDENING=OFF")
endif()

# adreca_dpkg_buildflag(<out-var> <flag>): the flag's value as a list. Run in
# the source folder, so that -ffile-prefix-map maps the sources to ".".
function(adreca_dpkg_buildflag out_var flag)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all "DEB_${flag}_MAINT_STRIP=-g -O2"
            ${ADRECA_DPKG_BUILDFLAGS} --get ${flag}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    OUTPUT_VARIABLE value
    OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
  separate_arguments(value UNIX_COMMAND "${value}")
  set(${out_var} ${value} PARENT_SCOPE)
endfunction()

adreca_dpkg_buildflag(adreca_cppflags CPPFLAGS)
adreca_dpkg_buildflag(adreca_cxxflags CXXFLAGS)
adreca_dpkg_buildflag(adreca_ldflags LDFLAGS)

# Control-flow protection and stack clash protection, which hardening-check
# also asks for: Debian's dpkg adds them to "hardening=+all" from version 1.22
# on (features "branch" and "stackclash"); older ones, such as Debian 12's,
# leave them out, so they are added here where the compiler knows them.
include(CheckCXXCompilerFlag)
foreach(flag -fcf-protection -fstack-clash-protection)
  string(MAKE_C_IDENTIFIER "ADRECA_HAS${flag}" supported)
  check_cxx_compiler_flag(${flag} ${supported})
  if(${supported} AND NOT flag IN_LIST adreca_cxxflags)
    list(APPEND adreca_cxxflags ${flag})
  endif()
endforeach()

add_compile_options(${adreca_cppflags} ${adreca_cxxflags})
add_link_options(${adreca_ldflags})

include(CheckPIESupported)
check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)

message(STATUS "Hardening: ${adreca_cppflags} ${adreca_cxxflags} ${adreca_ldflags} -fPIE -pie")
