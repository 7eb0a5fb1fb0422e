#include "anim/scene_state.h"

SceneState scene;
std::vector<Point3> placedCubes;

const Point3 buildPath[buildPathLength] = {
    {0.0f, 0.0f, 0.0f},   {-0.2f, 0.0f, 0.0f},  {-0.2f, 0.0f, 0.2f},  {0.0f, 0.0f, 0.2f},
    {0.0f, 0.2f, 0.2f},   {0.0f, 0.2f, 0.0f},   {-0.2f, 0.2f, 0.0f},  {-0.2f, 0.2f, 0.2f},
    {-0.2f, 0.2f, 0.4f},  {0.0f, 0.2f, 0.4f},   {0.2f, 0.2f, 0.4f},   {0.2f, 0.2f, 0.2f},
    {0.2f, 0.2f, 0.0f},   {0.2f, 0.0f, 0.0f},   {0.2f, -0.2f, 0.0f},  {0.0f, -0.2f, 0.0f},
    {-0.2f, -0.2f, 0.0f}, {-0.2f, -0.2f, 0.2f}, {-0.2f, -0.2f, 0.4f}, {-0.2f, 0.0f, 0.4f},
    {0.0f, 0.0f, 0.4f},   {0.2f, 0.0f, 0.4f},   {0.2f, 0.0f, 0.2f},   {0.2f, -0.2f, 0.2f},
    {0.2f, -0.2f, 0.4f},  {0.0f, -0.2f, 0.4f},  {0.0f, -0.2f, 0.2f},
};

const Point3 spreadDirections[maxPlacedCubes] = {
    {0, 0, 0},   {0, 0, -1},  {-1, 0, -1}, {-1, 0, 0},   {0, 0, 0},   {0, 1, 0},   {0, 1, -1},
    {-1, 1, -1}, {-1, 1, 0},  {-1, 1, 1},  {0, 1, 1},    {1, 1, 1},   {1, 1, 0},   {1, 1, -1},
    {1, 0, -1},  {1, -1, -1}, {0, -1, -1}, {-1, -1, -1}, {-1, -1, 0}, {-1, -1, 1}, {-1, 0, 1},
    {0, 0, 1},   {1, 0, 1},   {1, 0, 0},   {1, -1, 0},   {1, -1, 1},  {0, -1, 1},  {0, -1, 0},
};

void clearScene() {
    scene = SceneState{};
    placedCubes.clear();
}

void seedPlacedCubes() {
    placedCubes.reserve(maxPlacedCubes);
    placedCubes.push_back(Point3{0.0f, 0.0f, 0.0f});
    placedCubes.push_back(buildPath[0]);
}
