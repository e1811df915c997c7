// tests/support/recordingrenderer.h -- a renderer that records its calls and the matrix each one saw.
#pragma once

#include <GL/gl.h>

#include <array>
#include <string>
#include <vector>

#include "renderer.h"

class RecordingRenderer : public Renderer {
public:
    struct Call {
        std::string what; // "Begin", "DrawFace", "End"
        const Face* face = nullptr;
        const Vec3* vertices = nullptr;
        const TexCoord2* texCoords = nullptr;
        std::array<float, 16> modelview{};
        int stackDepth = 0;
    };

    explicit RecordingRenderer(bool setPerVertexInBegin = false) : setPerVertex(setPerVertexInBegin) {}

    void Begin() override
    {
        if (setPerVertex) {
            perVertex = true;
        }
        Record("Begin", nullptr, nullptr, nullptr);
    }
    void DrawFace(const Face* face, const Vec3* vertices, const TexCoord2* texCoords) override
    {
        Record("DrawFace", face, vertices, texCoords);
    }
    void End() override { Record("End", nullptr, nullptr, nullptr); }

    std::vector<Call> calls;

private:
    void Record(const char* what, const Face* face, const Vec3* vertices, const TexCoord2* texCoords)
    {
        Call call;
        call.what = what;
        call.face = face;
        call.vertices = vertices;
        call.texCoords = texCoords;
        glGetFloatv(GL_MODELVIEW_MATRIX, call.modelview.data());
        GLint depth = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        call.stackDepth = depth;
        calls.push_back(call);
    }

    bool setPerVertex;
};
