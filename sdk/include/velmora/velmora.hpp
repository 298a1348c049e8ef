#pragma once

#include "velmora/decoding_error.hpp"
#include "velmora/error.hpp"
#include "velmora/host_actions.hpp"
#include "velmora/json_coding.hpp"
#include "velmora/json_value.hpp"
#include "velmora/types.hpp"
