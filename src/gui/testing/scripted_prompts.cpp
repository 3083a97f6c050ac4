// The prompts are all in the header; this file makes them a library.
#include "gui/testing/scripted_prompts.h"
