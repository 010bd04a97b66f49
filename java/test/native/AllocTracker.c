// Counts the password buffers the component allocates and the binding frees, so
// the Java tests see any path that leaks one, or frees one not wiped. Preloaded (LD_PRELOAD): its AllocMem
// replaces the support library's, and its free sees every free() of the process.
#include <jni.h>
#include <stdatomic.h>
#include <stdlib.h>

extern void __libc_free(void* block);

// A password lives for one native call: 256 slots are plenty (one over is not counted).
#define SLOT_COUNT 256
static _Atomic(void*) slots[SLOT_COUNT];
static size_t sizes[SLOT_COUNT];
static atomic_long outstanding;
static atomic_long unwiped;

void* AllocMem(size_t size) {
    void* block = malloc(size);
    if (block == NULL) return NULL;
    for (int i = 0; i < SLOT_COUNT; ++i) {
        void* expected = NULL;
        if (atomic_compare_exchange_strong(&slots[i], &expected, block)) {
            sizes[i] = size;
            atomic_fetch_add(&outstanding, 1);
            return block;
        }
    }
    return block;
}

void free(void* block) {
    // The table is searched only while a tracked block is outstanding.
    for (int i = 0; block != NULL && atomic_load(&outstanding) > 0 && i < SLOT_COUNT; ++i) {
        if (atomic_load(&slots[i]) != block) continue;
        for (size_t at = 0; at < sizes[i]; ++at) {
            if (((const unsigned char*)block)[at] != 0) {
                atomic_fetch_add(&unwiped, 1);
                break;
            }
        }
        void* expected = block;
        if (atomic_compare_exchange_strong(&slots[i], &expected, NULL)) {
            atomic_fetch_sub(&outstanding, 1);
            break;
        }
    }
    __libc_free(block);
}

// TestNative's static natives, each reading one counter.
#define COUNTER(name, counter)                                                                        \
    JNIEXPORT jlong JNICALL Java_com_korvane_vesticor_pwdpolicy_TestNative_##name(JNIEnv* env, jclass type) { \
        (void)env, (void)type;                                                                        \
        return atomic_load(&counter);                                                                 \
    }
COUNTER(outstandingBlocks, outstanding)
COUNTER(unwipedBlocks, unwiped)
