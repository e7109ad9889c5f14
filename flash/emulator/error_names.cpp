#include "flash/emulator/error_names.h"

#include <cerrno>

namespace emu {
namespace {

struct ErrorNameRow {
    int error;
    std::string_view name;
};

constexpr ErrorNameRow kErrorNames[] = {
    {EPERM, "EPERM"},   {ENOENT, "ENOENT"},         {EIO, "EIO"},       {ENXIO, "ENXIO"},
    {EBADF, "EBADF"},   {EAGAIN, "EAGAIN"},         {ENOMEM, "ENOMEM"}, {EACCES, "EACCES"},
    {EFAULT, "EFAULT"}, {EBUSY, "EBUSY"},           {ENODEV, "ENODEV"}, {EISDIR, "EISDIR"},
    {EINVAL, "EINVAL"}, {EMFILE, "EMFILE"},         {ENOTTY, "ENOTTY"}, {ETIMEDOUT, "ETIMEDOUT"},
    {EEXIST, "EEXIST"}, {EOPNOTSUPP, "EOPNOTSUPP"},
};

}  // namespace

int ErrorByName(std::string_view name) {
    for (const ErrorNameRow& row : kErrorNames) {
        if (row.name == name) return row.error;
    }
    return 0;
}

std::string_view ErrorName(int error) {
    for (const ErrorNameRow& row : kErrorNames) {
        if (row.error == error) return row.name;
    }
    return "E?";
}

}  // namespace emu
