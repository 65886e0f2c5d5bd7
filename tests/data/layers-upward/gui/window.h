#pragma once

#include <QString>

#include "app/monitor.h"
