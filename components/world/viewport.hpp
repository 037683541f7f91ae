// Maps the world onto a device rectangle, keeping its aspect and centring it.
#pragma once
#include "geometry.hpp"

#include <windows.h>
#include <algorithm>
#include <cmath>

namespace tangram {

struct Viewport {
    double scale = 1; // device pixels per model unit
    double left = 0;  // device position of model x = 0
    double top = 0;   // device position of model y = 0
    Vec world{20, 20};

    static Viewport fit(const RECT &area, Vec world)
    {
        const double width = area.right - area.left, height = area.bottom - area.top;
        Viewport v;
        v.world = world;
        v.scale = std::max(std::min(width / world.x, height / world.y), 1e-6);
        v.left = area.left + (width - world.x * v.scale) / 2;
        v.top = area.top + (height - world.y * v.scale) / 2;
        return v;
    }
    POINT to_device(Vec model) const
    {
        return {std::lround(left + model.x * scale), std::lround(top + model.y * scale)};
    }
    Vec to_model(POINT device) const { return {(device.x - left) / scale, (device.y - top) / scale}; }
    RECT board() const
    {
        const POINT a = to_device({0, 0}), b = to_device(world);
        return {a.x, a.y, b.x, b.y};
    }
};

} // namespace tangram
