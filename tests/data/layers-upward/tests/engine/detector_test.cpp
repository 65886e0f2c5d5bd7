#include "engine/arp_detector.h"
#include "gui/main_window.h"
#include "tests/support/arp_frames.h"
