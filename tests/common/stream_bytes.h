// The bytes a memory stream holds, for comparing with what a test expects.
#pragma once

#include <string>

#include "base/stream.h"

std::string ContentOf(TMemoryStream& stream);
