// The converter component's published version.
#pragma once

inline constexpr char ConverterVersion[] = "3.3";
