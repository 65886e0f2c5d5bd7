#pragma once

#include "app/monitor.h"
#include "common/clock.h"
#include "engine/pcap/pcap_driver.h"
