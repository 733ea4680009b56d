"""A Faker provider of identity-card numbers that pass kesmal's checks.

    from faker import Faker
    from kesmal.faker import Provider
    fake = Faker()
    fake.add_provider(Provider)
    fake.cn_id(sex="female", birth="1985-05-03")

Each number's seed is drawn from the generator's own random source, so seeding
Faker (Faker.seed, or fake.seed / fake.seed_instance in older Fakers) makes
the numbers reproducible. The keywords are those of kesmal.make.
"""
from faker.providers import BaseProvider

from kesmal._kesmal import make_one


class Provider(BaseProvider):
    def tw_id(self, **options):
        return make_one("tw", self.generator.random.getrandbits(32), **options)

    def hk_id(self, **options):
        return make_one("hk", self.generator.random.getrandbits(32), **options)

    def cn_id(self, **options):
        return make_one("cn", self.generator.random.getrandbits(32), **options)

    def cn15_id(self, **options):
        return make_one("cn15", self.generator.random.getrandbits(32), **options)

    def kr_id(self, **options):
        return make_one("kr", self.generator.random.getrandbits(32), **options)
