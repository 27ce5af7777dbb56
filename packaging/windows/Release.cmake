# The Windows release, made from the program of this build: the MSI (wixl,
# from adreca-mac.wxs) and the portable ZIP, in <build>/release. Included by
# the top-level CMakeLists.txt after app/win32, whose icon it uses.
# scripts/windows-release builds them; where it is given a certificate, the
# program is signed before it goes into either, and the MSI after it is made
# (scripts/sign-windows, which reads the certificate from the environment).

find_program(ADRECA_WIXL wixl REQUIRED)

set(ADRECA_RELEASE_DIR ${CMAKE_BINARY_DIR}/release)
set(ADRECA_WXS ${CMAKE_CURRENT_LIST_DIR}/adreca-mac.wxs)
set(ADRECA_SIGN_SCRIPT ${PROJECT_SOURCE_DIR}/scripts/sign-windows)
set(ADRECA_ICO ${CMAKE_BINARY_DIR}/app/win32/resources/adreca-mac.ico)

# The programs that the release ships, by target (each has its component in
# adreca-mac.wxs): the window and the console report.
set(ADRECA_RELEASE_PROGRAMS adreca-mac adreca-report)

# The stage: the programs (signed where a certificate is given) and the
# texts, with Windows line ends.
set(ADRECA_RELEASE_STAGE ${ADRECA_RELEASE_DIR}/adreca-mac-${PROJECT_VERSION}-windows-x64)
configure_file(${CMAKE_CURRENT_LIST_DIR}/README.txt.in ${ADRECA_RELEASE_STAGE}/README.txt @ONLY NEWLINE_STYLE CRLF)
configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${ADRECA_RELEASE_STAGE}/LICENSE.txt NEWLINE_STYLE CRLF)
set(ADRECA_RELEASE_STAGED ${ADRECA_RELEASE_STAGE}/README.txt ${ADRECA_RELEASE_STAGE}/LICENSE.txt)
foreach(program IN LISTS ADRECA_RELEASE_PROGRAMS)
  add_custom_command(
    OUTPUT ${ADRECA_RELEASE_STAGE}/${program}.exe
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${program}> ${ADRECA_RELEASE_STAGE}/${program}.exe
    COMMAND ${ADRECA_SIGN_SCRIPT} --if-configured ${ADRECA_RELEASE_STAGE}/${program}.exe
    DEPENDS ${program} ${ADRECA_SIGN_SCRIPT}
    COMMENT "Staging ${program}.exe"
    VERBATIM)
  list(APPEND ADRECA_RELEASE_STAGED ${ADRECA_RELEASE_STAGE}/${program}.exe)
endforeach()
add_custom_target(adreca_stage DEPENDS ${ADRECA_RELEASE_STAGED})

# adreca_windows_msi(<target> <version> <msi>): the MSI of the stage at a
# version. Its ProductCode is derived from the version, so that a rebuilt
# package of one version is the same product and a package of another
# version upgrades it. The namespace is the package's UpgradeCode, which
# never changes.
function(adreca_windows_msi target version msi)
  string(UUID product_code NAMESPACE F06C9993-7F1C-476F-83DF-49551158DC6A NAME "adreca-mac ${version}" TYPE SHA1
                                     UPPER)
  # wixl takes the files' paths relative to where it runs.
  file(RELATIVE_PATH stage ${ADRECA_RELEASE_DIR} ${ADRECA_RELEASE_STAGE})
  file(RELATIVE_PATH icon ${ADRECA_RELEASE_DIR} ${ADRECA_ICO})
  add_custom_command(
    OUTPUT ${msi}
    COMMAND ${ADRECA_WIXL} --arch x64 -D Version=${version} -D ProductCode=${product_code} -D StageDir=${stage}
            -D IconFile=${icon} --output ${msi} ${ADRECA_WXS}
    COMMAND ${ADRECA_SIGN_SCRIPT} --if-configured ${msi}
    DEPENDS ${ADRECA_WXS} ${ADRECA_RELEASE_STAGED} adreca_stage adreca_icon ${ADRECA_SIGN_SCRIPT}
    WORKING_DIRECTORY ${ADRECA_RELEASE_DIR}
    COMMENT "Making ${msi}"
    VERBATIM)
  add_custom_target(${target} DEPENDS ${msi})
endfunction()

set(ADRECA_MSI ${ADRECA_RELEASE_DIR}/adreca-mac-${PROJECT_VERSION}-x64.msi)
set(ADRECA_ZIP ${ADRECA_RELEASE_DIR}/adreca-mac-${PROJECT_VERSION}-windows-x64.zip)
adreca_windows_msi(adreca_msi ${PROJECT_VERSION} ${ADRECA_MSI})

# The ZIP holds the stage's folder, so that it unpacks into a folder of its
# own; its dates are the source's, not the build's.
add_custom_command(
  OUTPUT ${ADRECA_ZIP}
  COMMAND ${CMAKE_COMMAND} -E rm -f ${ADRECA_ZIP}
  COMMAND ${CMAKE_COMMAND} -E tar cf ${ADRECA_ZIP} --format=zip "--mtime=2000-01-01 00:00:00 UTC"
          adreca-mac-${PROJECT_VERSION}-windows-x64
  WORKING_DIRECTORY ${ADRECA_RELEASE_DIR}
  DEPENDS ${ADRECA_RELEASE_STAGED} adreca_stage
  COMMENT "Making ${ADRECA_ZIP}"
  VERBATIM)
add_custom_target(adreca_zip DEPENDS ${ADRECA_ZIP})
add_custom_target(adreca_release DEPENDS adreca_msi adreca_zip)
