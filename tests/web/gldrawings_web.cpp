// tests/web/gldrawings_web.cpp -- the layer comparison's browser half: the drawings through
// platform/web/gl11.h on the page's canvas (gldrawings.html), then document.title "drawn".
#include <emscripten.h>
#include <emscripten/html5.h>

#include "gldrawings.h"
#include "platform/web/gl11.h"

int main()
{
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.preserveDrawingBuffer = EM_TRUE;
    emscripten_set_canvas_element_size("#canvas", kDrawingCount * kDrawingTile, kDrawingTile);
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context("#canvas", &attributes);
    if (context <= 0 || emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS ||
        !emscripten_webgl_enable_extension(context, "OES_element_index_uint") || !WebGlAttach()) {
        emscripten_run_script("document.title = 'no context'");
        return 1;
    }
    DrawAllCases();
    WebGlFlush();
    emscripten_run_script("document.title = 'drawn'");
    return 0;
}
