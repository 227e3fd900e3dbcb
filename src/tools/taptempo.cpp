#include "tools/taptempo.h"

namespace tonvela {

std::optional<int32_t> TapTempo::tap(int64_t nowMs) {
    std::optional<int32_t> tempo;
    if (previous_) {
        const int64_t d = (nowMs - *previous_) * 1000;
        if (d > 200000 && d <= 3000000) tempo = static_cast<int32_t>(d);
    }
    previous_ = nowMs;
    return tempo;
}

}  // namespace tonvela
