# web/web.cmake -- the show for the browser (Emscripten): the engine and the show's scenes as they are, on
# the web back end of platform/ (platform/web/), into a page in ${CMAKE_BINARY_DIR}/site.
# Included by the top-level CMakeLists.txt when the toolchain is Emscripten's (make web).
#
# The sound, the song's timeline and the 3D text's glyph outlines are made by native programs:
# BRIMT_NATIVE_BUILD names the desktop build folder that holds tools/songtimeline and tools/bakeglyphs
# (make web builds it first).

set(BRIMT_NATIVE_BUILD "${PROJECT_SOURCE_DIR}/build" CACHE PATH "The desktop build, for its tools")
find_program(FFMPEG ffmpeg REQUIRED)

# --- GL 1.1 and GLU: our own layer over WebGL (its headers are the sysroot's GL/gl.h and GL/glu.h) ---
add_library(brimt_gl INTERFACE)

# --- platform/ on the web ---
add_library(platform_web STATIC
    platform/web/app_web.cpp
    platform/web/background_web.cpp
    platform/web/decimal_web.cpp
    platform/web/dialog_web.cpp
    platform/web/gl11.cpp
    platform/web/glyphs_web.cpp
    platform/web/jpeg_stb.cpp
    platform/web/music_web.cpp
    platform/glyphshapes.cpp
    platform/glyphlists.cpp
    platform/songtimeline.cpp
)
target_include_directories(platform_web PUBLIC ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/platform)
# stb_image comes with Emscripten.
target_include_directories(platform_web SYSTEM PRIVATE ${EMSCRIPTEN_ROOT_PATH}/third_party)
brimt_warnings(platform_web)
# stb_image is written for its own warnings, not ours.
set_source_files_properties(platform/web/jpeg_stb.cpp PROPERTIES COMPILE_OPTIONS "-Wno-old-style-cast;-Wno-cast-align;-Wno-null-dereference;-Wno-shadow")
# The names the engine's CMakeLists.txt links.
add_library(platform_jpeg ALIAS platform_web)
add_library(platform_glyphs ALIAS platform_web)
add_library(platform_decimal ALIAS platform_web)

add_subdirectory(glarve)

# --- the program: the shell, the show and the browser's host ---
add_library(brimt_web_show STATIC
    brimt/appicon.cpp
    brimt/brimt.cpp
    brimt/dlgsetup.cpp
    brimt/livepath.cpp
    brimt/glwindow.cpp
    brimt/demowindow.cpp
    ${BRIMT_WEB_EXTRA_SOURCES}
)
target_include_directories(brimt_web_show PUBLIC ${PROJECT_SOURCE_DIR}/brimt ${PROJECT_SOURCE_DIR})
target_link_libraries(brimt_web_show PUBLIC glarve platform_web)
brimt_warnings(brimt_web_show)

add_executable(brimt_engine brimt/webmain.cpp)
target_link_libraries(brimt_engine PRIVATE brimt_web_show)
brimt_warnings(brimt_engine)
set_target_properties(brimt_engine PROPERTIES SUFFIX ".js")
target_link_options(brimt_engine PRIVATE
    -lGL
    -sENVIRONMENT=web
    -sMAX_WEBGL_VERSION=1
    -sALLOW_MEMORY_GROWTH=1
    -sFORCE_FILESYSTEM=1
    -sEXIT_RUNTIME=0
    "-sEXPORTED_RUNTIME_METHODS=['FS','ccall']"
    "-sEXPORTED_FUNCTIONS=['_main','_brimt_begin','_brimt_frame','_brimt_test_frames','_brimt_result','_brimt_frame_status']"
)

# --- the song: sound (Ogg Opus) and timeline, made by the native tools ---
set(MUSIC_DIR ${CMAKE_BINARY_DIR}/music)
add_custom_command(
    OUTPUT ${MUSIC_DIR}/Pkfloyd.ogg ${MUSIC_DIR}/Pkfloyd.timeline
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MUSIC_DIR}
    COMMAND ${BRIMT_NATIVE_BUILD}/tools/songtimeline ${PROJECT_SOURCE_DIR}/DATA/Pkfloyd.xm
            ${MUSIC_DIR}/Pkfloyd.wav ${MUSIC_DIR}/Pkfloyd.timeline
    COMMAND ${FFMPEG} -v error -y -i ${MUSIC_DIR}/Pkfloyd.wav -c:a libopus -b:a 96k ${MUSIC_DIR}/Pkfloyd.ogg
    DEPENDS ${PROJECT_SOURCE_DIR}/DATA/Pkfloyd.xm ${BRIMT_NATIVE_BUILD}/tools/songtimeline
    COMMENT "Rendering the song for the page"
    VERBATIM)

# --- the 3D text's glyphs: the desktop's shapes of the show's face (the page has no font system) ---
set(GLYPHS_FILE ${CMAKE_BINARY_DIR}/glyphs/CourierNew-Bold.glyphs)
add_custom_command(
    OUTPUT ${GLYPHS_FILE}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/glyphs
    COMMAND ${BRIMT_NATIVE_BUILD}/tools/bakeglyphs ${GLYPHS_FILE} "Courier New"
    DEPENDS ${BRIMT_NATIVE_BUILD}/tools/bakeglyphs
    COMMENT "Baking the 3D text's glyph outlines for the page"
    VERBATIM)
# The one target that makes the file: the site and the GL layer's check both wait for it, so that the
# rule never runs twice at once in a parallel build.
add_custom_target(glyphs_file DEPENDS ${GLYPHS_FILE})

# --- the site: the page, the engine, the show's files ---
set(SITE ${CMAKE_BINARY_DIR}/site)
file(GLOB DATA_FILES ${PROJECT_SOURCE_DIR}/DATA/*)
list(FILTER DATA_FILES EXCLUDE REGEX "\\.xm$") # the page plays the rendered sound, not the module
add_custom_target(site ALL
    COMMAND ${CMAKE_COMMAND} -E make_directory ${SITE}/DATA
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/web/index.html ${PROJECT_SOURCE_DIR}/web/page.js
            ${PROJECT_SOURCE_DIR}/web/page.css ${SITE}/
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:brimt_engine> $<TARGET_FILE_DIR:brimt_engine>/brimt_engine.wasm
            ${SITE}/
    COMMAND ${CMAKE_COMMAND} -E copy ${DATA_FILES} ${MUSIC_DIR}/Pkfloyd.timeline ${GLYPHS_FILE} ${SITE}/DATA/
    COMMAND ${CMAKE_COMMAND} -E copy ${MUSIC_DIR}/Pkfloyd.ogg ${SITE}/
    COMMAND ${CMAKE_COMMAND} -DSITE=${SITE} -P ${PROJECT_SOURCE_DIR}/web/datalist.cmake
    DEPENDS brimt_engine ${MUSIC_DIR}/Pkfloyd.ogg ${MUSIC_DIR}/Pkfloyd.timeline
            web/index.html web/page.js web/page.css
    VERBATIM)
add_dependencies(site glyphs_file)

# --- the GL layer's own check: the same drawings as the desktop's GL draws (tests/web/gldrawings*) ---
add_executable(gldrawings tests/web/gldrawings.cpp tests/web/gldrawings_web.cpp)
target_link_libraries(gldrawings PRIVATE platform_web)
brimt_warnings(gldrawings)
set_target_properties(gldrawings PROPERTIES SUFFIX ".js" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/gltest)
# The glyph case reads the shapes file where the page has it.
add_dependencies(gldrawings glyphs_file)
target_link_options(gldrawings PRIVATE -lGL -sENVIRONMENT=web -sMAX_WEBGL_VERSION=1 -sALLOW_MEMORY_GROWTH=1
    "--embed-file=${GLYPHS_FILE}@/DATA/CourierNew-Bold.glyphs")
add_custom_command(TARGET gldrawings POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/tests/web/gldrawings.html ${CMAKE_BINARY_DIR}/gltest/
    VERBATIM)
