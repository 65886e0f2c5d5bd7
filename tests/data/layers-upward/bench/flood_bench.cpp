#include <pcap.h>

#include "gui/main_window.h"
