#include "platform/dshow/gst_support.h"

#include <mutex>

namespace zv::dshow {

bool EnsureGstreamer()
{
    static std::once_flag once;
    static bool started = false;
    std::call_once(once, [] {
        GError* error = nullptr;
        started = gst_init_check(nullptr, nullptr, &error) != FALSE;
        if (error) g_error_free(error);
    });
    return started;
}

GstRef<GstElement> MakeElement(const char* factory, const char* name)
{
    GstElement* element = gst_element_factory_make(factory, name);
    if (element == nullptr) return nullptr;
    return GstRef<GstElement>(GST_ELEMENT(gst_object_ref_sink(element)));
}

bool AddGhostPad(GstElement* bin, GstElement* element, const char* padName, const char* ghostName)
{
    GstRef<GstPad> target(gst_element_get_static_pad(element, padName));
    if (!target) return false;
    GstPad* ghost = gst_ghost_pad_new(ghostName, target.get());
    if (ghost == nullptr) return false;
    gst_pad_set_active(ghost, TRUE);
    return gst_element_add_pad(bin, ghost) != FALSE;
}

} // namespace zv::dshow
