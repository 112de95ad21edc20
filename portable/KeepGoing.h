#pragma once
// The one question long work asks now and then (a decode, a scaling, a pass over many
// pictures): false stops it before its end, and it answers that it stopped.
#include <functional>

using KeepGoing = std::function<bool()>;
