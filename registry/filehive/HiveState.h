#pragma once

namespace tessaport {

enum class HiveState { Missing, Present, Denied };

} // namespace tessaport
