// Geo-referenced 8-bit images as reference layers, read through GDAL.
#pragma once

struct ReferenceFile;

extern const char kImageNotGrey[];      // one band that is no 8-bit grey band, with the path
extern const char kImageNot8Bit[];      // colour bands that are not bytes, with the path
extern const char kImageNoGeoref[];     // no geotransform, with the path
extern const char kImageOpenFailed[];   // "Unable to open image file for reading:\n    %s\n"
extern const char kImageReadFailed[];
extern const char kImageNotNorthUp[];   // rotation, south-up, west-running or zero pixel size, with the path
extern const char kImageDriverMissing[];   // the driver's name, then the path
extern const char kImageFormatNotSupported[];   // the GDAL driver's short name, then the path   // a pixel row GDAL cannot read, with the title

// 1 when GDAL opens the file with an accepted driver, its bands are 8-bit and
// it has a geotransform; a failing band or geotransform test is told.
int CheckReferenceImage(const char* path);
// The whole image in memory: one grey band, or blue, green, red bytes.
ReferenceFile* LoadReferenceImage(const char* path, const char* title);
