#pragma once

// Where everything sits in the editor, shared by the editor and the artwork generator so that
// the painted panel, the knobs, the lamp and the meter line up. Editor coordinates; the panel
// image is drawn at panelOffsetX, panelOffsetY.

namespace editorlayout
{
struct Box
{
    int x, y, w, h;
};

constexpr int width = 300, height = 600;
constexpr int panelOffsetX = 2, panelOffsetY = 1;

constexpr Box inputKnob { 107, 19, 128, 128 };
constexpr Box attackKnob { 107, 158, 128, 128 };
constexpr Box releaseKnob { 107, 296, 128, 128 };
constexpr Box outputKnob { 107, 434, 128, 128 };
constexpr Box ratioKnob { 29, 49, 80, 80 };
constexpr Box distortionKnob { 29, 141, 80, 80 };
constexpr Box filterKnob { 29, 234, 80, 80 };
constexpr Box peakLed { 253, 83, 11, 11 };
constexpr Box meter { 45, 369, 23, 128 };
constexpr Box linkButton { 0, 582, 100, 21 };
constexpr Box versionLabel { 260, 580, 102, 24 };

constexpr int meterLamps = 8;
constexpr int meterFrames = meterLamps + 1; // frame 0 dark, frame k the top k lamps lit
constexpr int lampFrames = 2; // the clip lamp off and lit
constexpr int meterLampPitch = 16; // one lamp per 16 rows of the 128-row meter

// Inside a large knob's 128 x 128 frame: the dial's centre and radius.
constexpr float bigDialCentreX = 64.0f, bigDialCentreY = 72.0f, bigDialRadius = 44.0f;
// Inside a switch knob's 80 x 80 frame.
constexpr float switchCentreX = 40.0f, switchCentreY = 44.0f, switchRadius = 14.0f;
} // namespace editorlayout
