/*
 * symbols.c -- finding a program function by its name (HTTP handlers and
 * thread functions).
 *
 * `dlsym` sees only dynamic symbols, and the build tool links programs
 * without exporting theirs. So when `dlsym` fails we fall back on the
 * program's own static symbol table: /proc/self/exe is mapped once, its
 * .symtab read, and the defined global and weak functions kept in a table
 * sorted by name (binary search, no allocation per lookup). The addresses
 * in the file are link-time ones; the load bias of the main program (the
 * first object dl_iterate_phdr reports) turns them into run-time ones.
 * Local (static) functions are left out, as `dlsym` would leave them out.
 * A stripped program simply has no fallback.
 *
 * The file mapping stays for the life of the process: the table's names
 * point into it, and the kernel pages in only what is read.
 */
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <pthread.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

typedef struct {
    const char *name;
    uintptr_t addr;
} _qo_sym_entry;

static _qo_sym_entry *_qo_sym_table;
static size_t _qo_sym_count;
static pthread_once_t _qo_sym_once = PTHREAD_ONCE_INIT;

static int _qo_sym_bias_of_first(struct dl_phdr_info *info, size_t size, void *out) {
    (void)size;
    *(uintptr_t *)out = (uintptr_t)info->dlpi_addr;
    return 1;
}

static int _qo_sym_cmp(const void *a, const void *b) {
    return strcmp(((const _qo_sym_entry *)a)->name, ((const _qo_sym_entry *)b)->name);
}

/* The section header table, or NULL when the image is not a well-formed
 * 64-bit ELF file of this size. */
static const Elf64_Shdr *_qo_sym_sections(const unsigned char *img, size_t size) {
    const Elf64_Ehdr *eh = (const Elf64_Ehdr *)img;
    if (size < sizeof *eh || memcmp(eh->e_ident, ELFMAG, SELFMAG) != 0 ||
        eh->e_ident[EI_CLASS] != ELFCLASS64 || eh->e_shentsize != sizeof(Elf64_Shdr))
        return NULL;
    if (eh->e_shoff > size || (size - eh->e_shoff) / sizeof(Elf64_Shdr) < eh->e_shnum)
        return NULL;
    return (const Elf64_Shdr *)(img + eh->e_shoff);
}

static int _qo_sym_in_file(const Elf64_Shdr *s, size_t size) {
    return s->sh_offset <= size && s->sh_size <= size - s->sh_offset;
}

/* Appends the defined global and weak functions of one symbol section. */
static void _qo_sym_collect(const unsigned char *img, size_t size, const Elf64_Shdr *secs,
                            uint16_t nsec, const Elf64_Shdr *symtab, uintptr_t bias) {
    if (symtab->sh_link >= nsec || symtab->sh_entsize != sizeof(Elf64_Sym)) return;
    const Elf64_Shdr *strsec = &secs[symtab->sh_link];
    if (!_qo_sym_in_file(symtab, size) || !_qo_sym_in_file(strsec, size) || !strsec->sh_size)
        return;
    const char *strs = (const char *)img + strsec->sh_offset;
    if (strs[strsec->sh_size - 1] != '\0') return; /* names must end inside the table */
    const Elf64_Sym *syms = (const Elf64_Sym *)(img + symtab->sh_offset);
    size_t n = symtab->sh_size / sizeof(Elf64_Sym);
    _qo_sym_table = _qo_xrealloc(_qo_sym_table, (_qo_sym_count + n) * sizeof *_qo_sym_table);
    for (size_t i = 0; i < n; i++) {
        const Elf64_Sym *sym = &syms[i];
        int bind = ELF64_ST_BIND(sym->st_info);
        if (ELF64_ST_TYPE(sym->st_info) != STT_FUNC || sym->st_shndx == SHN_UNDEF ||
            (bind != STB_GLOBAL && bind != STB_WEAK) || sym->st_name >= strsec->sh_size ||
            strs[sym->st_name] == '\0')
            continue;
        _qo_sym_table[_qo_sym_count].name = strs + sym->st_name;
        _qo_sym_table[_qo_sym_count].addr = (uintptr_t)sym->st_value + bias;
        _qo_sym_count++;
    }
}

static void _qo_sym_load(void) {
    int fd = open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    struct stat st;
    void *img = MAP_FAILED;
    if (fstat(fd, &st) == 0 && st.st_size > 0)
        img = mmap(NULL, (size_t)st.st_size, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (img == MAP_FAILED) return;
    size_t size = (size_t)st.st_size;
    const Elf64_Shdr *secs = _qo_sym_sections(img, size);
    uintptr_t bias = 0;
    dl_iterate_phdr(_qo_sym_bias_of_first, &bias);
    uint16_t nsec = secs ? ((const Elf64_Ehdr *)img)->e_shnum : 0;
    for (uint16_t i = 0; i < nsec; i++)
        if (secs[i].sh_type == SHT_SYMTAB) _qo_sym_collect(img, size, secs, nsec, &secs[i], bias);
    if (_qo_sym_count == 0) {
        munmap(img, size);
        return;
    }
    qsort(_qo_sym_table, _qo_sym_count, sizeof *_qo_sym_table, _qo_sym_cmp);
}

void *_qo_find_function(const char *name) {
    if (!name || !*name) return NULL;
    void *fn = dlsym(RTLD_DEFAULT, name);
    if (fn) return fn;
    pthread_once(&_qo_sym_once, _qo_sym_load);
    _qo_sym_entry key = {name, 0};
    const _qo_sym_entry *hit =
        _qo_sym_count ? bsearch(&key, _qo_sym_table, _qo_sym_count, sizeof key, _qo_sym_cmp) : NULL;
    return hit ? (void *)hit->addr : NULL;
}
