// Everything the filter-graph layer offers, in one include.
#pragma once

#include "platform/dshow/capture_builder.h"
#include "platform/dshow/class_ids.h"
#include "platform/dshow/device_controls.h"
#include "platform/dshow/device_enum.h"
#include "platform/dshow/dshow_types.h"
#include "platform/dshow/filter_graph.h"
#include "platform/dshow/sample_grabber.h"
