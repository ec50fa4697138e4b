// Keeps a layer library valid while its folders are still empty.
