// A constant the build's tampered fixture (quilsdk_flipped.dll) changes one byte of. The byte sits
// in .rdata, a section the Authenticode image hash covers, yet nothing in the DLL reads it, so the
// tampered copy still loads and behaves like the original: only its signature check must fail.
extern "C" __attribute__((used)) const char quilsdk_tamper_target[] =
    "QUILSDK-STANDIN-TAMPER-TARGET:0123456789abcdef";
