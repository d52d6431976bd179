# The files the .deb package installs, installed into a folder of this test's
# own, and checked as Debian and software centres check them: the AppStream
# description by appstreamcli, the desktop entry by desktop-file-validate,
# the manual page by man. A tool that is missing skips the test (the output
# says which; scripts/install-deps.sh installs them).
#   cmake -DBUILD=<build folder> -DCONFIG=<config> -DAPP_ID=<id> -DOUT=<folder> -P packaging.cmake

file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --config "${CONFIG}"
                        --component deb --prefix ${OUT}
                RESULT_VARIABLE failed OUTPUT_QUIET)
if(failed)
    message(FATAL_ERROR "installing the package's files failed")
endif()

foreach(f bin/pagewick lib/pagewick/pagewick share/applications/pagewick.desktop
          share/metainfo/${APP_ID}.metainfo.xml share/man/man1/pagewick.1
          share/icons/hicolor/scalable/apps/pagewick.svg
          share/icons/hicolor/16x16/apps/pagewick.png
          share/icons/hicolor/256x256/apps/pagewick.png)
    if(NOT EXISTS ${OUT}/${f})
        message(FATAL_ERROR "the package lacks ${f}")
    endif()
endforeach()

# Each check: the tool, then its arguments.
set(checks
    "appstreamcli|validate|--no-net|--explain|${OUT}/share/metainfo/${APP_ID}.metainfo.xml"
    "desktop-file-validate|${OUT}/share/applications/pagewick.desktop"
    "man|--warnings|-l|-Tutf8|${OUT}/share/man/man1/pagewick.1")
set(missing)
foreach(check IN LISTS checks)
    string(REPLACE "|" ";" check "${check}")
    list(GET check 0 tool)
    find_program(found_${tool} ${tool})
    if(NOT found_${tool})
        list(APPEND missing ${tool})
        continue()
    endif()
    list(REMOVE_AT check 0)
    execute_process(COMMAND ${found_${tool}} ${check}
                    RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE err)
    # man (groff) reports faults of the page as warnings.
    if(failed OR (tool STREQUAL "man" AND err MATCHES "warning"))
        message(FATAL_ERROR "${tool} ${check} failed:\n${out}${err}")
    endif()
    message(STATUS "${tool}: valid")
endforeach()

# The metainfo names the desktop entry the package installs.
file(READ ${OUT}/share/metainfo/${APP_ID}.metainfo.xml metainfo)
if(NOT metainfo MATCHES "<launchable type=\"desktop-id\">pagewick.desktop</launchable>")
    message(FATAL_ERROR "the AppStream description does not name pagewick.desktop")
endif()
if(missing)
    message(STATUS "SKIP: not installed: ${missing}")
endif()
