prog.vep
missÿþ.pre
