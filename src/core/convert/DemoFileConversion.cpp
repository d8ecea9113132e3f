#include "core/convert/DemoFileConversion.h"

#include <string_view>

#include "core/archive/DemoFile.h"
#include "core/common/FileNames.h"
#include "core/common/FileWrite.h"
#include "core/summary/DemoReader.h"

namespace core {

DemoFileConversionResult ConvertDemoFile(const DemoFileConversion& job)
{
    DemoFileConversionResult result;
    const DemoBytes bytes = LoadDemoBytes(job.name, job.archive);
    if (!bytes.found || bytes.memoryError || !bytes.problem.empty()) {
        result.failure = bytes.problem.empty() ? "the demo could not be read" : bytes.problem;
        return result;
    }
    if (job.fromProtocol) {
        result.fromProtocol = *job.fromProtocol;
    } else {
        ReadWishes wishes;
        const std::string extension = LowerExtension(job.name);
        wishes.extension = extension;
        result.fromProtocol = ReadDemo(bytes.data.span(), wishes).protocol;
        if (result.fromProtocol == 0) {
            result.failure = "it holds no server information that names its protocol: it is no demo, or a damaged one";
            return result;
        }
    }
    ConvertedDemo converted =
        ConvertDemo(bytes.data.span(), result.fromProtocol,
                    job.toProtocol.value_or(PreferredConversionTarget(result.fromProtocol)), job.data, job.stop);
    if (!converted.ok) {
        result.failure = converted.failure;
        return result;
    }
    result.dropped = std::move(converted.dropped);
    result.brokeOff = std::move(converted.brokeOff);
    const std::string_view written(reinterpret_cast<const char*>(converted.bytes.data()), converted.bytes.size());
    if (!ReplaceFileContents(job.output, written)) {
        result.failure = "the converted demo could not be written to " + job.output;
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace core
