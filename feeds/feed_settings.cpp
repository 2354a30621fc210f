#include "feeds/feed_settings.h"

std::atomic<double> rangeNm{40.0};
