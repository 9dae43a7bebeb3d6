#include "platform/mediaplayer/MediaControl.h"

#include <cmath>

namespace qsr::mediaplayer {

ChannelGains GainsFor(int volume, int balance) {
    const auto level = [](int hundredthsDb) {
        return hundredthsDb <= IMediaControl::kMinVolume ? 0.0
                                                         : std::pow(10.0, hundredthsDb / 2000.0);
    };
    const double master = level(volume);
    const double left = balance > 0 ? level(-balance) : 1.0;
    const double right = balance < 0 ? level(balance) : 1.0;
    return {master * left, master * right};
}

}  // namespace qsr::mediaplayer
