#include "CommonDigest.h"
#include "CommonHMAC.h"

#include "platform/core/Log.h"

#include <cstdlib>
#include <openssl/evp.h>
#include <openssl/hmac.h>

namespace qv {

namespace {

// OpenSSL reads a null key or message as "none given"; an empty one is
// meant here, so empty inputs point at a byte that is never read.
const unsigned char nothing = 0;

const void* orEmpty(const void* bytes, size_t length)
{
    return length == 0 || !bytes ? &nothing : bytes;
}

unsigned char* digest(const EVP_MD* kind, const void* data, size_t length, unsigned char* md)
{
    if (!EVP_Digest(orEmpty(data, length), length, md, nullptr, kind, nullptr)) {
        // Only a broken libcrypto fails here; a wrong digest must never
        // be taken for a right one.
        logLine("CommonCrypto: the digest could not be computed");
        abort();
    }
    return md;
}

} // namespace

unsigned char* CC_MD5(const void* data, size_t length, unsigned char* md)
{
    return digest(EVP_md5(), data, length, md);
}

unsigned char* CC_SHA1(const void* data, size_t length, unsigned char* md)
{
    return digest(EVP_sha1(), data, length, md);
}

void CCHmac(CCHmacAlgorithm algorithm, const void* key, size_t keyLength, const void* data, size_t dataLength,
    void* macOut)
{
    const EVP_MD* kind = algorithm == kCCHmacAlgMD5 ? EVP_md5() : EVP_sha1();
    // A key longer than the digest's block is replaced by its digest, as
    // the RFC does anyway; doing it here keeps any length within what
    // OpenSSL takes.
    unsigned char hashedKey[EVP_MAX_MD_SIZE];
    if (keyLength > static_cast<size_t>(EVP_MD_get_block_size(kind))) {
        digest(kind, key, keyLength, hashedKey);
        key = hashedKey;
        keyLength = static_cast<size_t>(EVP_MD_get_size(kind));
    }
    unsigned int written = 0;
    if (!HMAC(kind, orEmpty(key, keyLength), static_cast<int>(keyLength), static_cast<const unsigned char*>(orEmpty(data, dataLength)),
            dataLength, static_cast<unsigned char*>(macOut), &written)) {
        logLine("CommonCrypto: the keyed digest could not be computed");
        abort();
    }
}

} // namespace qv
