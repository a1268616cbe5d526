// The precompiled Qt headers are built with this file (see KESTREL_PCH).
