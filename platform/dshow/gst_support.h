// GStreamer start-up and owning pointers for its objects.
#pragma once

#include <gst/gst.h>

#include <memory>

namespace zv::dshow {

// Initialises GStreamer once per process; false when it cannot start (no plugin registry).
bool EnsureGstreamer();

struct GstObjectUnref {
    void operator()(gpointer object) const { if (object) gst_object_unref(object); }
};
struct GstCapsUnref {
    void operator()(GstCaps* caps) const { if (caps) gst_caps_unref(caps); }
};

template <class T>
using GstRef = std::unique_ptr<T, GstObjectUnref>;
using CapsRef = std::unique_ptr<GstCaps, GstCapsUnref>;

// Makes an element from a factory; the result is owned (not floating). Null when the plugin is
// missing.
GstRef<GstElement> MakeElement(const char* factory, const char* name = nullptr);

// Gives a bin a ghost pad named like the target pad of one of its elements.
bool AddGhostPad(GstElement* bin, GstElement* element, const char* padName, const char* ghostName);

} // namespace zv::dshow
