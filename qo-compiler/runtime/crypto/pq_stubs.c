/*
 * pq_stubs.c -- the post-quantum entry points of a build without liboqs.
 *
 * Programs that call them still compile and link; every call answers the
 * same error object, and verification never succeeds.
 */

static qo_val_t _qo_pq_unavailable(void) {
    return http_error_json(QO_STR("liboqs not linked, post-quantum primitives unavailable"));
}

qo_val_t pq_keygen_signature(void) { return _qo_pq_unavailable(); }

qo_val_t pq_sign(qo_val_t secret_key, qo_val_t message) {
    (void)secret_key, (void)message;
    return _qo_pq_unavailable();
}

qo_val_t pq_verify(qo_val_t public_key, qo_val_t message, qo_val_t signature) {
    (void)public_key, (void)message, (void)signature;
    return 0;
}

qo_val_t pq_kem_keygen(void) { return _qo_pq_unavailable(); }

qo_val_t pq_kem_encaps(qo_val_t public_key) {
    (void)public_key;
    return _qo_pq_unavailable();
}

qo_val_t pq_kem_decaps(qo_val_t secret_key, qo_val_t ciphertext) {
    (void)secret_key, (void)ciphertext;
    return _qo_pq_unavailable();
}

qo_val_t pq_hybrid_keygen(void) { return _qo_pq_unavailable(); }

qo_val_t pq_hybrid_handshake(qo_val_t peer_public_key) {
    (void)peer_public_key;
    return _qo_pq_unavailable();
}
