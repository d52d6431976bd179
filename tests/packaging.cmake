# The .deb package's files, installed into a folder of the test's own and
# checked as Debian and software centres check them. A missing checking tool
# skips the test, saying which (scripts/install-deps.sh installs them).
#   cmake -DBUILD=<build> -DCONFIG=<config> -DAPP_ID=<id> -DOUT=<folder> -P packaging.cmake
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --config "${CONFIG}" --component deb
                        --prefix ${OUT} RESULT_VARIABLE failed OUTPUT_QUIET)
foreach(f lib/pagewick/pagewick share/icons/hicolor/scalable/apps/pagewick.svg
          share/icons/hicolor/256x256/apps/pagewick.png)
    if(failed OR NOT EXISTS ${OUT}/${f})
        message(FATAL_ERROR "the package lacks ${f}")
    endif()
endforeach()
set(missing)
foreach(check "appstreamcli|validate|--no-net|share/metainfo/${APP_ID}.metainfo.xml"
              "desktop-file-validate|share/applications/pagewick.desktop"
              "man|--warnings|-l|-Tutf8|share/man/man1/pagewick.1")
    string(REPLACE "|" ";" check "${check}")
    list(POP_FRONT check tool)
    list(POP_BACK check file)
    find_program(found_${tool} ${tool})
    if(NOT found_${tool})
        list(APPEND missing ${tool})
        continue()
    endif()
    execute_process(COMMAND ${found_${tool}} ${check} ${OUT}/${file}
                    RESULT_VARIABLE failed OUTPUT_VARIABLE out ERROR_VARIABLE err)
    # man (groff) tells a page's faults as warnings.
    if(failed OR NOT EXISTS ${OUT}/${file} OR err MATCHES "warning")
        message(FATAL_ERROR "${tool} ${file}:\n${out}${err}")
    endif()
endforeach()
if(missing)
    message(STATUS "SKIP: not installed: ${missing}")
endif()
