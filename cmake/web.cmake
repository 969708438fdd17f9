# The web build's files beside the program (mirrors.js, mirrors.wasm) and its two packages. Included by the
# top CMakeLists.txt in the Emscripten tree, after the `mirrors` target.
#
# Served folder: index.html, mirrors.js, mirrors.wasm, manifest.webmanifest, sw.js, icon-192.png and
# icon-512.png; with them mirrors.html, the same page and program in one file.
find_program(MIRRORS_NODE node REQUIRED)
set(web_source ${PROJECT_SOURCE_DIR}/platform/src/hosts/web)
set(web_out ${CMAKE_CURRENT_BINARY_DIR})
# The page's JavaScript half is linked into mirrors.js (platform/CMakeLists.txt): a change to it relinks.
set_property(TARGET mirrors APPEND PROPERTY LINK_DEPENDS ${MIRRORS_WEB_LIBRARIES})
configure_file(${web_source}/index.html ${web_out}/index.html COPYONLY)

# The app's icons are the desktop icon's picture (tools/icon), which renders the program on the headless
# host: a host tool, built from this same source tree with the machine's own compiler in a tree of its own.
include(ExternalProject)
set(host_tools ${web_out}/host-tools)
ExternalProject_Add(host_icon_tool
  SOURCE_DIR ${PROJECT_SOURCE_DIR}
  BINARY_DIR ${host_tools}
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DMIRRORS_TESTS=OFF -DMIRRORS_BENCHMARKS=OFF
  BUILD_COMMAND ${CMAKE_COMMAND} --build ${host_tools} --target icon
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${host_tools}/tools/icon
  INSTALL_COMMAND "")
set(web_icons)
foreach(size 192 512)
  add_custom_command(OUTPUT ${web_out}/icon-${size}.png
                     COMMAND ${host_tools}/tools/icon ${size} ${web_out}/icon-${size}.png
                     DEPENDS host_icon_tool ${host_tools}/tools/icon
                     COMMENT "Rendering the page's ${size} x ${size} icon")
  list(APPEND web_icons ${web_out}/icon-${size}.png)
endforeach()

set(web_notices ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/platform/src/gdi/gdi_font.LICENSE)
string(REPLACE ";" "," web_notice_list "${web_notices}")
add_custom_command(OUTPUT ${web_out}/mirrors.html ${web_out}/sw.js ${web_out}/manifest.webmanifest
                   COMMAND ${MIRRORS_NODE} ${web_source}/pack_page.mjs --source ${web_source} --out ${web_out}
                           --version ${PROJECT_VERSION} --notices ${web_notice_list}
                   DEPENDS mirrors ${web_out}/index.html ${web_icons} ${web_source}/pack_page.mjs
                           ${web_source}/sw.js ${web_source}/manifest.webmanifest ${web_notices}
                   COMMENT "Writing mirrors.html, the service worker and the manifest")
add_custom_target(web_page ALL DEPENDS ${web_out}/mirrors.html ${web_out}/sw.js)

# The packages, for `make package`: the served folder as a zip (with the licences: the font's asks for its
# notice in every copy) and the single page under a versioned name. mirrors.html carries the notices itself.
set(web_package_name mirrors-${PROJECT_VERSION}-web)
set(web_stage ${web_out}/package/${web_package_name})
set(web_served index.html mirrors.js mirrors.wasm manifest.webmanifest sw.js icon-192.png icon-512.png mirrors.html)
list(TRANSFORM web_served PREPEND ${web_out}/ OUTPUT_VARIABLE web_served_paths)
add_custom_target(web_packages
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${web_out}/package
  COMMAND ${CMAKE_COMMAND} -E make_directory ${web_stage}
  COMMAND ${CMAKE_COMMAND} -E copy ${web_served_paths} ${web_notices} ${web_stage}
  COMMAND ${CMAKE_COMMAND} -E chdir ${web_out}/package
          ${CMAKE_COMMAND} -E tar cf ${web_out}/${web_package_name}.zip --format=zip ${web_package_name}
  COMMAND ${CMAKE_COMMAND} -E copy ${web_out}/mirrors.html ${web_out}/mirrors-${PROJECT_VERSION}.html
  DEPENDS web_page
  COMMENT "Packing ${web_package_name}.zip and mirrors-${PROJECT_VERSION}.html"
  VERBATIM)
