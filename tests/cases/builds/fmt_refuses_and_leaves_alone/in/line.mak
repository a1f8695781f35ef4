good.vep
