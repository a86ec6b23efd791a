#pragma once

// The object runtime and the substrate, all in one include.
#include "DynamicLibraries.h"
#include "IMP.h"
#include "MessageSend.h"
#include "Runtime.h"
#include "Substrate.h"
#include "TypeEncoding.h"
#include "ObjCMessage.h"
#include "RuntimeInstance.h"
