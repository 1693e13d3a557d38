// Any bytes as a label file: a table or a reason, never a crash.

#include "FuzzCheck.h"
#include "LabelTable.h"

#include <cstdint>
#include <fstream>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = "/tmp/vireo-fuzz-labels-" + std::to_string(getpid()) + ".txt";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), std::streamsize(size));
    QString error;
    const std::optional<ClassTable> table = LoadLabelTable(path, error);
    Check(table.has_value() || !error.isEmpty());
    return 0;
}
