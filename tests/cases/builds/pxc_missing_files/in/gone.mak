prog.vep
missing.pre
