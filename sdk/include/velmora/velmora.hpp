#pragma once

#include "velmora/configuration.hpp"
#include "velmora/decoding_error.hpp"
#include "velmora/error.hpp"
#include "velmora/events.hpp"
#include "velmora/host_actions.hpp"
#include "velmora/json_coding.hpp"
#include "velmora/json_value.hpp"
#include "velmora/models.hpp"
#include "velmora/procedure_models.hpp"
#include "velmora/types.hpp"
