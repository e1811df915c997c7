// glarve/glarve.h -- the glarve engine: everything a show needs to draw 3D scenes with OpenGL 1.1.
//
// What:   value types (Vec3, Color4, TexCoord2), meshes and mesh objects loaded from 3D Studio ASC
//         text files, object groups, and the renderer contract that draws faces in a given style.
// Needs:  OpenGL 1.1 and GLU with a current context on the calling thread for every Draw; loading
//         needs no context. Everything runs on one thread.
// Limits: immediate mode, one renderer call per face; loaders trust no file (bad counts, indices or
//         truncated files make a load fail, never read outside a buffer).
#pragma once

#include "mesh.h"
#include "objectgroup.h"
#include "renderer.h"
#include "sceneobject.h"
#include "vec.h"

// textures and renderers
#include "renderers.h"
#include "texture.h"

// outline text
#include "textobject.h"
