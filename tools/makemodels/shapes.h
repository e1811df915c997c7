// tools/makemodels/shapes.h -- the show's models: wire sphere, hammer handle and head, nail, particle cloud.
//
// Every model is built in 3D Studio's axes (z up). The show turns the hammers and the nail by -90
// degrees about x, which maps model (x, y, z) to view (x, z, -y): model z is up on screen, model x is
// to the right and model y goes away from the viewer. The sphere and the cloud spin on every axis.
#pragma once

#include "model.h"

// Object "sphere" of test.ASC: a geodesic sphere of radius kSphereRadius about the origin. Vertices
// 0, 20, 40 ... 380 are the 20 corners of a dodecahedron inscribed in it, so the spikes the intro
// pushes out of them stand evenly all over the sphere; the other vertices follow in build order.
Model MakeSphere();

// Object "manche" of marto.ASC: the hammer's handle, hanging from the origin down the -z axis.
Model MakeHandle();

// Object "Tete" of marto.ASC: the hammer's head, its eye round the origin, striking face towards +x
// and claw towards -x. Handle and head share one frame and are never centred: the origin is the
// hammer's swing pivot.
Model MakeHead();

// Object "clou" of clou.ASC: a nail along z, head up, point down, 18 long, its bounding box centred
// on (0, 35, 0): behind its origin as the show's camera sees it, and rocking about that origin's y axis.
Model MakeNail();

// Object "trucmuch" of trucmuch.ASC: a burst of sparks, rays of points round a dense core, and no
// faces (the show draws one sprite per vertex, and the loader takes a face count of 0). The core is
// at the origin, about which the show spins it.
Model MakeCloud();

// Sizes the tests and the show's author can rely on, in model units.
constexpr double kSphereRadius = 12.0;
