// The AudioDeviceOperator class: IAudioDeviceOperator (dual), its events through a connection
// point, rich errors and class information.
#pragma once

#include <windows.h>

#include <memory>

#include "audio_operator/core/audio_system.h"

namespace tl::audio_operator {

// Creates an operator over Core Audio on the calling thread (an apartment-threaded object: its
// events arrive through that thread's message loop) and gives the asked interface.
HRESULT CreateDeviceOperator(REFIID iid, void** out);
// The same over another audio system. The type library comes from the module that holds this
// code, so a program that links it needs Audevop's resources too.
HRESULT CreateDeviceOperatorOn(std::unique_ptr<AudioSystem> system, REFIID iid, void** out);

// The ProgID scripts create the class by, and the source named in its error information.
inline constexpr wchar_t kProgId[] = L"Audevop.AudioDeviceOperator";
inline constexpr wchar_t kVersionedProgId[] = L"Audevop.AudioDeviceOperator.1";
inline constexpr wchar_t kClassName[] = L"Audevop audio device operator";

}  // namespace tl::audio_operator
