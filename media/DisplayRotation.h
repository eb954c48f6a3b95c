// How far a video stream's pictures are to be turned to stand upright: the
// display matrix a phone or camera writes instead of turning the pictures
// themselves.
#pragma once

struct AVStream;

// Degrees clockwise (0, 90, 180 or 270) that turn the stored pictures upright,
// from the stream's display matrix; 0 without one, for a matrix that names no
// angle and for a null stream. Angles between the quarter turns go to the
// nearest one. A mirroring in the matrix is not counted.
int DisplayRotationDegrees(const AVStream* stream);
