#include "wrapper/quil_api_wrapper_impl.h"

// Placeholder until the loader lands: nothing is ever loaded.
bool QUILAPIWrapperImpl::Load(std::uint32_t* status) {
    *status = 3;
    return sdkModule != nullptr;
}
