// The five scenes of the sample show, each built as a scene clip for its place on the timeline.
#pragma once

class MeshRegistry;
class SceneClip;

// The shared meshes that several scenes and nodes use ("pillar", "gem", "cloud_bar", "pane",
// "crate", "slab").
void addSharedMeshes(MeshRegistry& registry);

// Dawn over a sea of tiles under a rising sun (the title plays over it).
SceneClip* buildDawnScene(MeshRegistry& registry, int startFrame, int endFrame);
// A carousel of pillars and gems around three hopping jellies, seen through glass panes.
SceneClip* buildGardenScene(MeshRegistry& registry, int startFrame, int endFrame);
// Crates, cubes and bottles fall onto a floor and a fixed ramp; a fountain sprays drops.
SceneClip* buildPlaygroundScene(MeshRegistry& registry, int startFrame, int endFrame);
// A metaball cloud rising inside a ring of orbiting gems.
SceneClip* buildMetaballScene(MeshRegistry& registry, int startFrame, int endFrame);
// Dusk over the sea: a ring of pillars, metaballs rising from the water, the camera pulls away.
SceneClip* buildDuskScene(MeshRegistry& registry, int startFrame, int endFrame);
