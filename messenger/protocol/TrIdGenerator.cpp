#include "messenger/protocol/TrIdGenerator.h"

#include <limits>

int32_t TrIdGenerator::NextId() {
    // Past the largest id the count starts again at 1, computed without signed overflow; 0 is never
    // handed out because it means "no id".
    LastId = LastId >= std::numeric_limits<int32_t>::max() || LastId < 0 ? 1 : LastId + 1;
    return LastId;
}
