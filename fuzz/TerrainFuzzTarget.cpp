#include "fuzz/FuzzEntries.h"

#include <cpl_error.h>
#include <osg/Notify>

// A refused raster is reported by GDAL and by the layer; at thousands of inputs a
// second those lines would cost more than the loading.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    osg::setNotifyLevel(osg::FATAL);
    CPLSetErrorHandler(CPLQuietErrorHandler);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    loadTerrainBytes(data, size);
    return 0;
}
