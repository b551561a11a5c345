#include "tools/teleop/demand.h"

#include <algorithm>

namespace tevrak::teleop {

Demand clamp(Demand demand, const Limits &limits) {
    return {std::clamp(demand.linear, -limits.max_linear, limits.max_linear),
            std::clamp(demand.angular, -limits.max_angular, limits.max_angular)};
}

void SteppedDemand::step(Step step, Clock::time_point now) {
    switch (step) {
    case Step::forward: demand_.linear += limits_.step_linear; break;
    case Step::backward: demand_.linear -= limits_.step_linear; break;
    case Step::left: demand_.angular += limits_.step_angular; break;
    case Step::right: demand_.angular -= limits_.step_angular; break;
    }
    demand_ = clamp(demand_, limits_);
    expires_ = now + lease_;
}

void SteppedDemand::expire(Clock::time_point now) {
    if (expires_ && now >= *expires_) stop();
}

}  // namespace tevrak::teleop
