#include "platform/PlatformConfig.h"

PlatformConfig& platformConfig() {
    static PlatformConfig config;
    return config;
}
