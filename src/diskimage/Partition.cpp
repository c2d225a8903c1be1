#include "diskimage/Partition.h"

namespace vorlap::diskimage {

namespace {

std::string_view trim(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

} // namespace

Partition wholeDiskPartition(uint64_t bytes)
{
    Partition whole;
    whole.name = "whole disk";
    whole.id = "0";
    whole.sectorCount = bytes / 512;
    return whole;
}

std::string partitionName(const std::string& label, const std::string& type, const std::string& id)
{
    return label + " (" + type + " : " + id + ")";
}

std::string partitionTypeFromName(std::string_view name)
{
    const size_t open = name.rfind('(');
    if (open == std::string_view::npos)
        return {};
    const size_t close = name.find(')', open);
    std::string_view inside = name.substr(open + 1, close == std::string_view::npos ? std::string_view::npos
                                                                                     : close - open - 1);
    const size_t colon = inside.rfind(':');
    if (colon != std::string_view::npos)
        inside = inside.substr(0, colon);
    return std::string(trim(inside));
}

} // namespace vorlap::diskimage
