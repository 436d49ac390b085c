// The program's dialog templates, icons and strings.
#pragma once

#include "framework/resources.h"

const ResourceModule& KestrovaResources();
