// The world's classes made by the folders below them: node kinds, scene physics and soft bodies.
#pragma once

// Registers the mesh and effect node classes with the node factory, the physics world of scenes
// and the soft body of meshes. Every program that links the world has them registered before
// main (the library is linked whole); calling it again changes nothing.
void registerWorldClasses();
