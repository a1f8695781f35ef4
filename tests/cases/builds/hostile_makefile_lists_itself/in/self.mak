self.mak
