#include "diskimage/udif/AdcDecoder.h"

namespace vorlap::diskimage::udif {

Result<void> decodeAdc(const uint8_t* in, size_t inLength, uint8_t* out, size_t outLength)
{
    size_t ip = 0;
    size_t op = 0;
    while (op < outLength) {
        if (ip >= inLength)
            return fail(ErrorCode::corrupt, "ADC chunk ends early");
        const uint8_t b = in[ip++];
        if (b & 0x80) {
            // Literal run.
            const size_t length = size_t{b & 0x7Fu} + 1;
            if (length > inLength - ip || length > outLength - op)
                return fail(ErrorCode::corrupt, "ADC literal runs past its chunk");
            for (size_t i = 0; i < length; ++i)
                out[op++] = in[ip++];
            continue;
        }
        size_t length = 0;
        size_t distance = 0;
        if (b & 0x40) {
            if (inLength - ip < 2)
                return fail(ErrorCode::corrupt, "ADC chunk ends early");
            length = size_t{b & 0x3Fu} + 4;
            distance = (size_t{in[ip]} << 8) | in[ip + 1];
            ip += 2;
        } else {
            if (inLength - ip < 1)
                return fail(ErrorCode::corrupt, "ADC chunk ends early");
            length = size_t{(b >> 2) & 0x0Fu} + 3;
            distance = (size_t{b & 0x03u} << 8) | in[ip];
            ip += 1;
        }
        if (distance + 1 > op)
            return fail(ErrorCode::corrupt, "ADC copy reaches before the start of its chunk");
        if (length > outLength - op)
            return fail(ErrorCode::corrupt, "ADC copy runs past its chunk");
        // Byte by byte: source and destination may overlap.
        const size_t from = op - distance - 1;
        for (size_t i = 0; i < length; ++i)
            out[op + i] = out[from + i];
        op += length;
    }
    if (ip != inLength)
        return fail(ErrorCode::corrupt, "ADC chunk has data left over");
    return {};
}

} // namespace vorlap::diskimage::udif
