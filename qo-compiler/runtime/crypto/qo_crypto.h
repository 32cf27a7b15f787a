/* Hashes, HMAC, hex and base64, authenticated encryption, identifiers. Part of qo_runtime.h; include that instead. */
#ifndef QO_CRYPTO_QO_CRYPTO_H
#define QO_CRYPTO_QO_CRYPTO_H

#endif
