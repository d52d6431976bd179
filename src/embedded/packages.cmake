# The packaged files the program carries inside itself: the readme and the
# four pages that send the web browser on to the maker's web site. They are
# made in the build tree with CR LF line breaks and compiled in as resources.
# Included from src/CMakeLists.txt once the pw_embedded library exists.

set(PAGEWICK_WEB_SITE "https://www.example.com" CACHE STRING
    "Address of the maker's web site; the Contact Us and Donate pages lead there")

# Goes into a tag attribute and a C++ string as it stands, so only a plain
# web address is taken.
string(REGEX REPLACE "/+$" "" _pw_site "${PAGEWICK_WEB_SITE}")
if(NOT _pw_site MATCHES "^https?://[A-Za-z0-9.-]+(:[0-9]+)?(/[A-Za-z0-9._~%/+-]*)?$")
    message(FATAL_ERROR "PAGEWICK_WEB_SITE must be a plain http:// or https:// address "
                        "without quotes, blanks or query, for example https://www.example.com "
                        "(it is \"${PAGEWICK_WEB_SITE}\").")
endif()

set(_pw_packages ${CMAKE_CURRENT_BINARY_DIR}/embedded/packages)

configure_file(${CMAKE_CURRENT_LIST_DIR}/packages/Readme.txt ${_pw_packages}/Readme.txt
               @ONLY NEWLINE_STYLE CRLF)

# Five lines joined by CR LF, without a break after the last. A page is
# written only when it changes, so that a new configure rebuilds nothing.
set(_pw_pages contact donate1 donate2 donate5)
foreach(_page IN LISTS _pw_pages)
    set(_file ${_pw_packages}/${_page}.html)
    string(CONCAT _content "<html>\r\n<head>\r\n<meta HTTP-EQUIV=\"REFRESH\" "
           "content=\"0; url=${_pw_site}/${_page}.html\">\r\n</head>\r\n</html>")
    string(HEX "${_content}" _new)
    set(_old "")
    if(EXISTS ${_file})
        file(READ ${_file} _old HEX)
    endif()
    if(NOT _old STREQUAL _new)
        file(WRITE ${_file} "${_content}")
    endif()
endforeach()

file(CONFIGURE OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/generated/pagewick_website.h @ONLY CONTENT
     "#pragma once\n// Made by the build from PAGEWICK_WEB_SITE.\n#define PAGEWICK_WEB_SITE \"${_pw_site}\"\n")
target_include_directories(pw_embedded PUBLIC ${CMAKE_CURRENT_BINARY_DIR}/generated)

qt_add_resources(pw_embedded "packages" PREFIX "/packages" BASE ${_pw_packages}
    FILES ${_pw_packages}/Readme.txt ${_pw_packages}/contact.html ${_pw_packages}/donate1.html
          ${_pw_packages}/donate2.html ${_pw_packages}/donate5.html)
