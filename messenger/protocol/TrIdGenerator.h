// The transaction ids of the run: 1, 2, ... 2147483647, then 1 again.
#pragma once

#include <cstdint>

#include "framework/base/QeSingleton.h"

class TrIdGenerator : public QeSingleton<TrIdGenerator> {
public:
    int32_t NextId();

    int32_t LastId = 0;
};
